#include "tests/unit/test_support.h"

void install_settings_menu() {}
