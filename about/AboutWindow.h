#pragma once
// How other windows open the About window.

#include "Services.h"

class QWidget;

// Shows the About window on behalf of `parent`, without making it modal and
// without an owner window: one instance per parent, brought to the front when
// it is already open, loaded afresh once it has been closed. It goes when
// `parent` goes.
void showAboutWindow(QWidget& parent, platform::Services& services);
