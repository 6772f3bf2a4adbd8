#include <iostream>

#include "app/commands.h"

int main(int argc, char** argv) {
    if (velaris::isOperatorCommand(argc, argv)) return velaris::runOperatorCommand(argc, argv, std::cout, std::cerr);
    std::cerr << "usage: velaris-accessi database create|demo FILE\n"
                 "       velaris-accessi sql --database FILE \"STATEMENT\"\n";
    return 1;
}
