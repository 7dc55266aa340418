#pragma once

#include <QIcon>
#include <QList>
#include <QString>

namespace hostaq {

// The built-in icon set, drawn for this program and compiled in: position 0 is the program's
// main icon, 1 to 8 are the state icons (normal, warning, error, disabled, dialing and the three
// frames of the update animation).
inline constexpr int BuiltInIconCount = 9;
QIcon BuiltInIcon(int position);

// The CustomIcons keys of a tray state 0..7 and the default index.
struct TIconKeys {
    const char* FileKey;
    const char* IndexKey;
    int DefaultIndex;
};
TIconKeys IconKeysOfState(int state);

// The images a file offers: the built-in set when the file name is empty or names the program
// itself; the images of a multi-image file (an .ico) in order; a single image otherwise; none
// when the file cannot be read.
QList<QIcon> IconsOfFile(const QString& file);

// The icon of a tray state: the file and index the configuration names, or the built-in icon of
// the state when the file lacks that index.
QIcon StateIcon(int state);

} // namespace hostaq
