#pragma once
#include <QStringList>

namespace cli {

// Parses the arguments (the program's name first) and runs the command they name. Returns the exit code: 0 done,
// 1 refused, 2 bad usage.
int run(const QStringList& arguments);

} // namespace cli
