#pragma once

class QLineEdit;
class QString;

// Keeps carriage returns and line feeds out of a single-line field. Every value such a field
// holds is stored unescaped in a name=value line of the settings file, where a line break would
// end the line and let the rest be read as a key of its own. The guard removes both characters
// whenever the text changes, however it got there: typing, pasting, a dropped or picked file
// name, or setText.
void GuardLineBreaks(QLineEdit *Edit);

// Text without any carriage return or line feed.
QString WithoutLineBreaks(const QString &Text);
