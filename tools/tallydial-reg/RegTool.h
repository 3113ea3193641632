#pragma once

#include "settings/RegistryStore.h"

#include <iosfwd>
#include <string>
#include <vector>

// The store's command-line tool in the manner of the Windows reg command:
// query, add, delete, export and import. `args` are the words after the program's name;
// questions are read from `in`. Returns the exit code: 0 done, 1 failed.
int RunRegTool(const std::vector<std::string>& args, std::istream& in, std::ostream& out, std::ostream& err,
               RegistryStore& store);
