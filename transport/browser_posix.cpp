#include "transport/oauth_sign_in.h"

// No browser of the system here: the tests install one of their own.
bool system_open_browser(const std::string&) { return false; }
