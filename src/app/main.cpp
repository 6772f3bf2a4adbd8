#include <iostream>

#include "app/commands.h"
#include "app/shell.h"
#ifdef VELARIS_HAVE_QT
#include "app/ui/qt_view.h"
#endif

int main(int argc, char** argv) {
    if (velaris::isOperatorCommand(argc, argv)) return velaris::runOperatorCommand(argc, argv, std::cout, std::cerr);
#ifdef VELARIS_HAVE_QT
    return velaris::runServer(argc, argv, std::cout, std::cerr, velaris::createQtView);
#else
    return velaris::runServer(argc, argv, std::cout, std::cerr);
#endif
}
