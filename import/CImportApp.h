#pragma once

// The import program: the wizard, or the batch import when the command line asks for it.
class CImportApp {
public:
    // Runs the program; returns its exit code.
    static int Run(int argc, char** argv);
};
