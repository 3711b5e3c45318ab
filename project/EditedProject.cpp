#include "project/EditedProject.h"

namespace sl {

ProjectAccess EditedProject::projectAccess()
{
    ProjectAccess access;
    access.getValue = [this](const QString &k, const QString &d) { return GetValue(k, d); };
    access.setValue = [this](const QString &k, const QString &v, const QString &d) { SetValue(k, v, d); };
    access.list = &projectList();
    return access;
}

} // namespace sl
