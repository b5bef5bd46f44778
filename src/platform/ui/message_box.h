#pragma once
// The message box the dialog service shows for messages, questions and
// message boxes.

#include <QMessageBox>
#include <QString>

#include <memory>
#include <utility>
#include <vector>

// Caption, text and icon; the buttons with the results they stand for (each
// button's property "lumadexErgebnis"), the default and the Esc button. The
// box is at least as wide as its title needs (InputTitleWidth), so the
// window manager never cuts the title short.
std::unique_ptr<QMessageBox> MakeMessageBox(const QString& caption, const QString& text, QMessageBox::Icon icon,
                                            const std::vector<std::pair<QString, int>>& buttons, int defaultIndex,
                                            int escapeResult);
