#pragma once

#include <QtGlobal>

// Symbols of libveltrack that hosts link against. The library is built with
// hidden visibility, so only what carries this macro is reachable.
#if defined(VELTRACK_LIBRARY)
#define VELTRACK_EXPORT Q_DECL_EXPORT
#else
#define VELTRACK_EXPORT Q_DECL_IMPORT
#endif
