#pragma once
// SystemfarbenSetzen: gives the controls of a form the system colours -
// panels and data-aware check boxes the button face, edits and the
// data-aware edit, combo, spin and date controls the window background.

class TCustomForm;

void SystemfarbenSetzen(TCustomForm* form);
