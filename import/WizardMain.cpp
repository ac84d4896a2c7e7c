#include "CImportApp.h"

int main(int argc, char** argv) {
    return CImportApp::Run(argc, argv);
}
