// The client's loading of the account table while its main window
// initialises: the table and the password key read, and the account manager
// offered when there is no table yet.
#pragma once

// Fills the client's table. Without a table file it makes an empty one and
// asks whether to set up an account (Yes starts the account manager and ends
// the client); the table is then empty and the result -1. Otherwise 0.
int accounts_load();
