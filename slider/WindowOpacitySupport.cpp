#include "WindowOpacitySupport.h"

#include <QGuiApplication>

bool WindowOpacitySupport::isAvailable()
{
    return platformCanApply(QGuiApplication::platformName());
}

bool WindowOpacitySupport::platformCanApply(const QString &platformName)
{
    // Platform plugins whose windows carry an opacity of their own. Wayland
    // ("wayland", "wayland-egl", …) has none, nor have the framebuffer and
    // single-surface plugins (eglfs, linuxfb, vnc, minimal).
    static const QStringList able = {
        QStringLiteral("xcb"),
        QStringLiteral("offscreen"),
        QStringLiteral("windows"),
        QStringLiteral("cocoa"),
    };
    return able.contains(platformName, Qt::CaseInsensitive);
}
