#pragma once

#include "VeltrackExport.h"

#include <QString>

// Whether the windowing system the application runs on can make a top-level
// window translucent. X11 can (a compositing manager renders the opacity the
// window asks for); Wayland gives clients no per-window opacity. The
// offscreen platform keeps the opacity it is given, so tests count it as able.
class VELTRACK_EXPORT WindowOpacitySupport final
{
public:
    WindowOpacitySupport() = delete;

    // For the platform plugin the application runs on.
    static bool isAvailable();
    // For a platform plugin name as QGuiApplication::platformName() gives it.
    static bool platformCanApply(const QString &platformName);
};
