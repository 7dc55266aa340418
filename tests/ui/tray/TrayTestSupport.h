#pragma once

#include "TempDir.h"
#include "config/ConfigPath.h"

#include <QBuffer>
#include <QByteArray>
#include <QColor>
#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QIcon>
#include <QImage>
#include <QImageWriter>
#include <QList>
#include <QVariant>
#include <QtEndian>
#include <gtest/gtest.h>
#include <vector>

namespace hostaq::test {

// A fresh configuration file in a temporary folder for each test.
class TTrayConfigTest : public ::testing::Test {
protected:
    void SetUp() override {
        configPath_ = dir_.File("hostaq.ini");
        WriteFileText(configPath_, "");
        SetConfigPath(configPath_);
    }
    void TearDown() override { SetConfigPath(""); }
    void WriteConfig(const std::string& text) { WriteFileText(configPath_, text); }

    TTempDir dir_;
    std::string configPath_;
};

// Records the emissions of one signal with their arguments.
class TSpy {
public:
    template <typename Sender, typename... Args> TSpy(Sender* sender, void (Sender::*signal)(Args...)) {
        QObject::connect(sender, signal, &context_,
                         [this](Args... args) { Calls.push_back({QVariant::fromValue(args)...}); });
    }
    int count() const { return static_cast<int>(Calls.size()); }
    const QList<QVariant>& operator[](int i) const { return Calls[static_cast<std::size_t>(i)]; }
    // Runs the event loop until the signal comes again; the limit only guards against a hang.
    bool wait(int guardMs = 5000) {
        const int before = count();
        const QDeadlineTimer deadline(guardMs);
        while (count() == before && !deadline.hasExpired())
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 50);
        return count() > before;
    }

    std::vector<QList<QVariant>> Calls;

private:
    QObject context_;
};

// What an icon shows at tray size.
inline QImage Pixels(const QIcon& icon, int size = 16) {
    return icon.pixmap(size).toImage().convertToFormat(QImage::Format_ARGB32);
}

inline QImage Filled(const QColor& colour, int size = 16) {
    QImage image(size, size, QImage::Format_ARGB32);
    image.fill(colour);
    return image;
}

// An .ico file holding the given images in order: each image is written as a one-image icon
// and the directories are joined.
inline QByteArray IcoOf(const QList<QImage>& images) {
    QList<QByteArray> entries;
    QList<QByteArray> payloads;
    for (const QImage& image : images) {
        QByteArray single;
        QBuffer buffer(&single);
        buffer.open(QIODevice::WriteOnly);
        QImageWriter writer(&buffer, "ico");
        if (!writer.write(image))
            return {};
        const quint32 offset = qFromLittleEndian<quint32>(single.constData() + 6 + 12);
        entries.append(single.mid(6, 16));
        payloads.append(single.mid(offset));
    }
    QByteArray file(6, '\0');
    qToLittleEndian<quint16>(1, file.data() + 2);
    qToLittleEndian<quint16>(static_cast<quint16>(images.size()), file.data() + 4);
    quint32 offset = 6 + 16 * static_cast<quint32>(images.size());
    for (int i = 0; i < entries.size(); ++i) {
        QByteArray entry = entries[i];
        qToLittleEndian<quint32>(offset, entry.data() + 12);
        file.append(entry);
        offset += static_cast<quint32>(payloads[i].size());
    }
    for (const QByteArray& payload : payloads)
        file.append(payload);
    return file;
}

} // namespace hostaq::test
