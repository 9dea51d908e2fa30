#pragma once
// One rule for the secondary windows a window opens (About, Verifica): one
// instance per parent, owned by a child object of the parent so it goes when
// the parent goes. A window the user closed is only hidden; the next request
// deletes it and makes a fresh one. Nothing else ever deletes such a window.

#include <QString>
#include <QWidget>
#include <functional>
#include <memory>

namespace platform {

// The parent's open window under `key`, or a fresh one from `make` when there
// is none or the last one was closed. `made` tells which.
QWidget& ownedWindow(QWidget& parent, const QString& key, const std::function<std::unique_ptr<QWidget>()>& make,
                     bool* made = nullptr);

// Deletes the parent's window under `key` now, if there is one.
void dropOwnedWindow(QWidget& parent, const QString& key);

} // namespace platform
