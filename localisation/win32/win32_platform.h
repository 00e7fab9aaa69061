// The Win32 services behind the language files.
#pragma once

#include "localisation/localisation_platform.h"

// CreateFileW/GetFileSize/ReadFile, MultiByteToWideChar, iswspace, _wfopen.
const LocalisationPlatform& Win32LocalisationPlatform();
