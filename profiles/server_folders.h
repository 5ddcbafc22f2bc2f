// What the "Server Folders" dialog of an IMAP account shows and what it
// lets the user keep: one row per server folder and its local folder, and
// the local folders of the program to choose from. The window only moves
// texts between its controls and these.
#pragma once

#include <string>
#include <vector>

#include "format/imap_folders.h"

// "INBOX -> maildir\inbox", in the system's 8-bit text.
std::string folder_row_text(const ImapFolderPair& pair);

// Every folder below "maildir" as its store path ("maildir\inbox",
// "maildir\work\2026"), in order of the paths; names beginning with "."
// are left out, as the client's tree leaves them out.
std::vector<std::string> local_folder_paths();

// Why the pair cannot go into the list, in place of the row `replacing`
// (-1: as a new row): the refusals of imap_folder_refusal, a server folder
// listed already (both rows would share one record of what was stored),
// a full list. Empty when it can.
std::string folder_list_refusal(const std::vector<ImapFolderPair>& list, const ImapFolderPair& pair, int replacing);
