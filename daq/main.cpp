#include "MainWindow.h"
#include "StartUp.h"

int main(int argc, char** argv) {
    return runProgram<MainWindow>(Program::Daq, argc, argv);
}
