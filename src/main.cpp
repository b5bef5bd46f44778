// QV-Lumadex: the program binary `lumadex`.
#include "app/lumadex_main.h"

int main(int argc, char** argv) { return LumadexMain(argc, argv); }
