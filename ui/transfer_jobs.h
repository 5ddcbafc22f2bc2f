// The main window's mail commands: each transfer runs as a job on a worker
// thread of its own, with the folders it writes into marked busy first.
#pragma once

#include <windows.h>

// "Receive Mail" (button 344) for the account chosen in the account box.
void receive_mail_command(HWND window);
// "Check All Accounts" (1200).
void check_all_accounts_command(HWND window);
// The listing of the server's headers when "E-mail Headers" opens; "temp"
// is already marked busy.
void start_header_listing(HWND window);
// "Download From Server" (392) and "Delete From Server" (382) on the rows
// chosen in the "E-mail Headers" list.
void download_from_server_command(HWND window);
void delete_from_server_command(HWND window);
// "Send Queued" (940).
void send_queued_command(HWND window);
// Whether a receive or server job started from the main window still runs.
bool mail_job_running();
