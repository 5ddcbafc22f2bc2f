// Threads. Every worker and window thread of the client starts here.
#pragma once

using ThreadFunction = void (*)(void* argument);

// Starts fn(argument) on a new thread with the default stack. Returns -1 when
// the thread could not be started, another value otherwise.
long start_thread(ThreadFunction fn, void* argument);
