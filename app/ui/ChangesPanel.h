#pragma once
// The "Изменения" panel: what the next write (F10) would change, field by
// field in the operator's units; empty after a reading or a successful write.
#include <QDockWidget>

class QListWidget;
class QTimer;

namespace tservice {

class DeviceImage;

class TChangesPanel : public QDockWidget {
    Q_OBJECT
public:
    // lastRead and image belong to the main window and outlive the panel.
    TChangesPanel(const DeviceImage& lastRead, const DeviceImage& image, QWidget* parent = nullptr);

    // Shows the changes of image over lastRead (none while image is unchanged
    // or not read). Also runs by itself three times a second (a compare of
    // two blocks when nothing changed), so every edit of the window shows
    // without a hook in each handler.
    void Refresh();

    QListWidget* ListChanges = nullptr;

private:
    const DeviceImage& lastRead_;
    const DeviceImage& image_;
    QTimer* timer_ = nullptr;
    QByteArray shown_;  // the block and flags last shown, to skip unchanged refreshes
};

}  // namespace tservice
