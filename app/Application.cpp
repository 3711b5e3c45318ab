#include "app/Application.h"

#include <QCoreApplication>

#include "platform/gui/Hooks.h"

namespace sl {

void setUpApplication()
{
    QCoreApplication::setApplicationName(kApplicationTitle);
}

} // namespace sl
