#pragma once
// The program's main block: one running copy per user, the splash while the
// forms of the whole run are made, and the message loop. Returns the exit
// code of the program.

int LumadexMain(int argc, char** argv);

class TMainForm;

// What the start-up of `form` left for after the first paint: the album's
// full-text index (TMainForm::VolltextNachDemZeigen) is opened, with its
// failures reported as the start-up reports them. Does nothing when the
// start-up opened or built the index itself, or when it was opened since.
void VolltextNachholen(TMainForm& form);
