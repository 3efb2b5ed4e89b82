// orvane-report: reads the program's events as collectors export them and
// writes one page a person reads, and a CSV beside it.
#include <ctime>

#include "platform/Console.h"
#include "report/Program.h"

int main(int argc, char** argv) {
  return report::Main(platform::Arguments(argc, argv), static_cast<std::int64_t>(std::time(nullptr)));
}
