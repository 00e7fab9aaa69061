// Resource ids of the window-layer tests.
#pragma once
#define IDD_FRAMEWORK_TEST 200
#define IDD_FRAMEWORK_MISSING 299
