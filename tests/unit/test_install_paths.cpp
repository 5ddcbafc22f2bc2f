// The installer's paths and commands, as the shell will run them.
#include <string>

#include <gtest/gtest.h>

#include "install/install_paths.h"

namespace {

TEST(InstallPathsTest, CommandsQuoteTheClientAndLeaveTheArgumentBare) {
    std::string folder = program_folder("C:\\Program Files\\Zenth Mail");
    EXPECT_EQ(client_path(folder), "C:\\Program Files\\Zenth Mail\\zenthmail.exe");
    EXPECT_EQ(open_command(folder), "\"C:\\Program Files\\Zenth Mail\\zenthmail.exe\" %1");
    EXPECT_EQ(mailto_command(folder), "\"C:\\Program Files\\Zenth Mail\\zenthmail.exe\" %1");
    EXPECT_EQ(startup_command(folder), "\"C:\\Program Files\\Zenth Mail\\zenthmail.exe\" --systemtray");
}

TEST(InstallPathsTest, OneTrailingBackslashGoes) {
    EXPECT_EQ(client_path(program_folder("C:\\")), "C:\\zenthmail.exe");
    EXPECT_EQ(client_path(program_folder("D:\\mail\\")), "D:\\mail\\zenthmail.exe");
    EXPECT_EQ(client_path(program_folder("D:\\mail")), "D:\\mail\\zenthmail.exe");
    EXPECT_EQ(program_folder(""), "");
}

TEST(InstallPathsTest, LongFoldersAreCutWhereTheFormatsCutThem) {
    std::string folder(320, 'f');
    EXPECT_EQ(client_path(folder), std::string(299, 'f') + "\\zenthmail.exe");
    EXPECT_EQ(open_command(folder), "\"" + std::string(299, 'f') + "\\zenthmail.exe\" %1");
    EXPECT_EQ(desktop_shortcut(std::string(320, 'd')), std::string(300, 'd') + "\\Zenth Mail.lnk");
    EXPECT_EQ(start_menu_shortcut("C:\\Start Menu"), "C:\\Start Menu\\programs\\Zenth Mail.lnk");
}

}  // namespace
