// One check box standing for one bit of an option word: the options program
// and the account manager are mostly tables of these rows, kept where code
// without windows (and its tests) can read them.
#pragma once

struct CheckBit {
    int control;
    unsigned bit;
};
