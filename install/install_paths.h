// The paths and command lines the installer registers with the shell, built
// from the program folder. Each quotes the client's path: in a folder with a
// blank the shell would otherwise start the client with a command line that
// begins inside its own path (and a program named after the path's first
// word could run instead). The argument "%1" stays bare: the client takes
// its argument verbatim.
#pragma once

#include <string>

// The folder as the installer keeps it: one trailing backslash removed, so
// that a drive root "C:\" becomes "C:".
std::string program_folder(const char* current_directory);

std::string client_path(const std::string& folder);      // "%.299s\zenthmail.exe"
std::string open_command(const std::string& folder);     // the quoted client path, " %1"
std::string mailto_command(const std::string& folder);   // the same, for mailto: links
std::string startup_command(const std::string& folder);  // the quoted client path, " --systemtray"

std::string desktop_shortcut(const std::string& desktop);        // "%.300s\Zenth Mail.lnk"
std::string start_menu_shortcut(const std::string& start_menu);  // "%.300s\programs\Zenth Mail.lnk"

// What the ".eml" association and the class names.
extern const char eml_class[];             // "Zenth Mail File"
extern const char eml_default_class[];     // "Microsoft Internet Mail Message"
