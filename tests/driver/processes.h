// The driver's view of processes: which run, which descend from the program
// it started, and ending them. The client starts helpers whose windows the
// tests look for too.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

// The root and every process descended from it.
std::vector<DWORD> process_tree(DWORD root);

bool contains(const std::vector<DWORD>& pids, DWORD pid);

// How many processes of that file name run; the name compared without case.
int count_processes(const std::string& exe);

// Ends the root's descendants of that file name (of any name when empty),
// never the root itself nor another program's processes of the same name;
// how many ended.
int end_descendants_of(DWORD root, const std::string& exe);
