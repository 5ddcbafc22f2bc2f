// The icon of a companion program, the first of its resources, so that
// Explorer and the task bar show it.
#pragma once

#define ZM_IDI_PROGRAM 1
