// The compiled code of an MML text in the notation velkari-mml compile prints
// and the tests compare: events as "XX YY" pairs of upper-case hex joined by
// ", ", "--" for an operand the compiler did not write, the end byte alone.
#pragma once

#include <string>

std::string describeCompiledText(const char* text);
