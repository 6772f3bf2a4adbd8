#include <iostream>

int main(int argc, char** argv) {
    (void)argc;
    (void)argv;
    std::cerr << "velaris-accessi: not yet runnable\n";
    return 1;
}
