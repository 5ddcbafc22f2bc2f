// The client's side of zenth.cfg: the file's record applied to the client
// (option state, menu check marks, fonts, the SOCKS proxy, the new-mail
// command and sound) at start-up, and gathered back from it whenever an
// option or a font changes through the client's menus.
#pragma once

#include "core/settings.h"

// Reads zenth.cfg from the working folder and applies it. Returns 0, or -1
// when it cannot be opened ("Could not open config file!"; every option keeps
// its default). A font that cannot be made says "Create font error!".
int settings_load();
// Writes zenth.cfg from the current state. Returns 0, or -1 when it cannot
// be opened for writing ("Cannot open config file!").
int settings_save();
// The option bits as settings_save would write them.
int settings_bits();
