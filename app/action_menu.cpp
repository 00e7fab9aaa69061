// Stand-in until the action menu lands: a menu that fails to show yields 0.
#include "app/action_menu.h"

CommandId ShowActionMenu(HINSTANCE) { return 0; }
