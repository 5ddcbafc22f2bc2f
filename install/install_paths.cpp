#include "install/install_paths.h"

const char eml_class[] = "Zenth Mail File";
const char eml_default_class[] = "Microsoft Internet Mail Message";

namespace {

// The client path as a command's program: quoted, at most 350 characters
// of it.
std::string quoted_client(const std::string& folder) { return "\"" + client_path(folder).substr(0, 350) + "\""; }

}  // namespace

std::string program_folder(const char* current_directory) {
    std::string folder = current_directory;
    if (!folder.empty() && folder.back() == '\\') folder.pop_back();
    return folder;
}

std::string client_path(const std::string& folder) { return folder.substr(0, 299) + "\\zenthmail.exe"; }

std::string open_command(const std::string& folder) { return quoted_client(folder) + " %1"; }

std::string mailto_command(const std::string& folder) { return quoted_client(folder) + " %1"; }

std::string startup_command(const std::string& folder) { return quoted_client(folder) + " --systemtray"; }

std::string desktop_shortcut(const std::string& desktop) { return desktop.substr(0, 300) + "\\Zenth Mail.lnk"; }

std::string start_menu_shortcut(const std::string& start_menu) {
    return start_menu.substr(0, 300) + "\\programs\\Zenth Mail.lnk";
}
