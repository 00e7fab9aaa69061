#define IDC_STATIC_HOMEPAGE 1000
#define IDC_COMBO 1001
#define IDC_OTHER	1000
#define _PRIVATE 5
#define IDX 1
#defined  Y 2
  #define
#include <x>
