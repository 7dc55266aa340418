#pragma once

#include <QObject>
#include <QString>
#include <memory>

namespace hostaq {

struct TCheckSettings;

// One web check of the public address at a time for a window (Detect My IP, the Test button): the
// check runs on its worker and Finished comes on the main thread with the address found (empty
// when none). A window that goes away before the answer simply never hears it.
class TWebCheck : public QObject {
    Q_OBJECT
public:
    explicit TWebCheck(QObject* parent = nullptr);
    ~TWebCheck() override;

    bool Running() const { return running_; }
    // False when a check is running already.
    bool Start(const TCheckSettings& settings);

signals:
    void Finished(const QString& address);

private:
    std::shared_ptr<bool> alive_ = std::make_shared<bool>(true);
    bool running_ = false;
};

} // namespace hostaq
