// Loads the element table named on the command line the way the program does at start-up, then
// reports how many records it read. Used by test_table_fatal to watch the process from outside.

#include "XrayDataBase.h"

#include <QString>

#include <cstdio>

int main(int argc, char **argv)
{
    if (argc < 2)
        return 2;
    XrayDataBase db;
    loadXrayDataBase(db, QString::fromLocal8Bit(argv[1]));
    std::printf("loaded %d records\n", db.size());
    return 0;
}
