#include "CVornApp.h"

#include <QApplication>

int main(int argc, char** argv) {
    QApplication qapp(argc, argv);
    CVornApp app;
    app.ReadSettings();
    return 0;
}
