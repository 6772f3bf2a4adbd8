#include <iostream>

#include "app/commands.h"
#include "app/shell.h"

int main(int argc, char** argv) {
    if (velaris::isOperatorCommand(argc, argv)) return velaris::runOperatorCommand(argc, argv, std::cout, std::cerr);
    return velaris::runServer(argc, argv, std::cout, std::cerr);
}
