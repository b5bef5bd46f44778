#pragma once
// The program's main block: one running copy per user, the splash while the
// forms of the whole run are made, and the message loop. Returns the exit
// code of the program.

int LumadexMain(int argc, char** argv);
