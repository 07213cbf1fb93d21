// tivra-cli: the access point service operations of the wizard, from the command line.
#include <string>
#include <vector>

#include "CliMain.h"

int main(int argc, char* argv[]) { return RunCli(std::vector<std::string>(argv + 1, argv + argc)); }
