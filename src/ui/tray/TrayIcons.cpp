// The built-in icon set and the CustomIcons lookup of the tray states.
#include "ui/tray/TrayIcons.h"

#include "config/ConfigKeys.h"
#include "config/ConfigPath.h"

#include <QDir>
#include <QFileInfo>
#include <QImage>
#include <QImageReader>
#include <QPixmap>

#include <algorithm>
#include <array>
#include <cstdlib>

// The icon resources live in a static library: the linker keeps them only when something names
// them, so the set registers itself before its first use.
static void InitTrayIconResources() {
    static const bool done = [] {
        Q_INIT_RESOURCE(TrayIcons);
        return true;
    }();
    (void)done;
}

namespace hostaq {
namespace {

constexpr std::array<const char*, BuiltInIconCount> BuiltInFiles = {
    ":/hostaq/tray/0-main.svg",  ":/hostaq/tray/1-normal.svg",   ":/hostaq/tray/2-warning.svg",
    ":/hostaq/tray/3-error.svg", ":/hostaq/tray/4-disabled.svg", ":/hostaq/tray/5-dialing.svg",
    ":/hostaq/tray/6-anim1.svg", ":/hostaq/tray/7-anim2.svg",    ":/hostaq/tray/8-anim3.svg",
};

struct TStateKeys {
    const TConfigKey& File;
    const TConfigKey& Index;
};

const std::array<TStateKeys, TrayStateCount> StateKeys = {{
    {Keys::NormalFile, Keys::NormalIdx},
    {Keys::WarningFile, Keys::WarningIdx},
    {Keys::ErrorFile, Keys::ErrorIdx},
    {Keys::DisableFile, Keys::DisableIdx},
    {Keys::DialerFile, Keys::DialerIdx},
    {Keys::Anim1File, Keys::Anim1Idx},
    {Keys::Anim2File, Keys::Anim2Idx},
    {Keys::Anim3File, Keys::Anim3Idx},
}};

int ClampState(int state) {
    return state >= 0 && state < TrayStateCount ? state : 0;
}

bool NamesTheProgram(const QString& file) {
    if (file.trimmed().isEmpty())
        return true;
    const QString self = QFileInfo(QString::fromStdString(ProgramPath())).canonicalFilePath();
    const QString named = QFileInfo(file).canonicalFilePath();
    return !self.isEmpty() && named == self;
}

bool IsVectorImage(const QString& file, const QByteArray& format) {
    return format.startsWith("svg") || file.endsWith(QLatin1String(".svg"), Qt::CaseInsensitive) ||
           file.endsWith(QLatin1String(".svgz"), Qt::CaseInsensitive);
}

} // namespace

QIcon BuiltInIcon(int position) {
    if (position < 0 || position >= BuiltInIconCount)
        return {};
    InitTrayIconResources();
    return QIcon(QString::fromLatin1(BuiltInFiles[static_cast<std::size_t>(position)]));
}

TIconKeys IconKeysOfState(int state) {
    const TStateKeys& keys = StateKeys[static_cast<std::size_t>(ClampState(state))];
    return {keys.File.Key, keys.Index.Key, std::atoi(keys.Index.Default)};
}

QString ResolveIconFile(const QString& file) {
    if (file.trimmed().isEmpty() || QDir::isAbsolutePath(file))
        return file;
    const std::string& config = ConfigPath();
    if (config.empty())
        return file;
    return QFileInfo(QString::fromStdString(config)).absoluteDir().filePath(file);
}

QList<QIcon> IconsOfFile(const QString& file) {
    QList<QIcon> icons;
    if (NamesTheProgram(file)) {
        for (int i = 0; i < BuiltInIconCount; ++i)
            icons.append(BuiltInIcon(i));
        return icons;
    }
    QImageReader reader(file);
    if (!reader.canRead())
        return icons;
    if (IsVectorImage(file, reader.format())) {
        // A drawing scales to every size the notification area asks for.
        icons.append(QIcon(file));
        return icons;
    }
    // Formats that cannot tell their count answer 0; they hold one image as far as we know.
    const int count = std::max(reader.imageCount(), 1);
    for (int i = 0; i < count; ++i) {
        if (i > 0 && !reader.jumpToImage(i))
            break;
        const QImage image = reader.read();
        if (image.isNull())
            break;
        icons.append(QIcon(QPixmap::fromImage(image)));
    }
    return icons;
}

QIcon ChosenIcon(const QString& file, int index, int state) {
    const QList<QIcon> icons = IconsOfFile(ResolveIconFile(file));
    if (index >= 0 && index < icons.size() && !icons[index].isNull())
        return icons[index];
    return BuiltInIcon(ClampState(state) + 1);
}

QIcon StateIcon(int state) {
    state = ClampState(state);
    const TStateKeys& keys = StateKeys[static_cast<std::size_t>(state)];
    return ChosenIcon(QString::fromStdString(ReadString(keys.File)), ReadInteger(keys.Index), state);
}

} // namespace hostaq
