#include "CBatchImport.h"

int main(int argc, char** argv) {
    return CBatchImport::Main(argc, argv, VELLOBY_WIZARD_RELATIVE);
}
