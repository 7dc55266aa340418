#pragma once

#include <QIcon>
#include <QList>
#include <QString>

namespace hostaq {

// The built-in icon set, drawn for this program and compiled in: position 0 is the program's
// main icon, 1 to 8 are the state icons (normal, warning, error, disabled, dialing and the three
// frames of the update animation).
inline constexpr int BuiltInIconCount = 9;
// Nothing for a position outside 0..8.
QIcon BuiltInIcon(int position);

// Tray states 0..7: normal, warning, error, disabled, dialing, animation frames 1 to 3. State s
// shows built-in position s + 1 unless CustomIcons names another picture.
inline constexpr int TrayStateCount = 8;

// The CustomIcons keys of a tray state 0..7 and the default index (a state outside the range is
// taken as 0). Frame 3's index key is Anim3Idx, named like the others.
struct TIconKeys {
    const char* FileKey;
    const char* IndexKey;
    int DefaultIndex;
};
TIconKeys IconKeysOfState(int state);

// The images a file offers: the built-in set when the file name is empty or names the program
// itself; the images of a multi-image file (an .ico) in order; a single image otherwise; none
// when the file cannot be read.
// Any picture format Qt reads is accepted; an SVG file is one scalable image.
QList<QIcon> IconsOfFile(const QString& file);

// A CustomIcons file name as stored: a relative name is taken from the configuration file's
// folder; empty stays empty.
QString ResolveIconFile(const QString& file);

// The picture a CustomIcons file and index give for a tray state, as the tray shows it: a relative
// name resolved as ResolveIconFile does, the built-in icon of the state when the file is missing,
// unreadable or lacks that index. The settings dialog's previews use it too.
QIcon ChosenIcon(const QString& file, int index, int state);

// The icon of a tray state: the file and index the configuration (ConfigPath()) names, or the
// built-in icon of the state when the file is missing, unreadable or lacks that index. Read at
// each call, so a changed configuration shows at the next state change.
QIcon StateIcon(int state);

} // namespace hostaq
