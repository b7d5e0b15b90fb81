#include "ShippedTables.h"

#include <QtGlobal>

void registerShippedTables()
{
    // Called from a function of the global namespace, as the registration macro requires.
    static const bool registered = [] {
        Q_INIT_RESOURCE(tirn_tables);
        return true;
    }();
    Q_UNUSED(registered)
}
