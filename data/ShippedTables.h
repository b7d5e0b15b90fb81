#pragma once

// Makes the tables the program ships (":XrayDataBase1.txt", ":CrossSections.txt",
// ":FluoLines.txt", ":ScatterFactors.txt", ":FYields/y-K.txt", ":FYields/y-L.txt") readable by
// those names. They are compiled into this library, which a static link would leave out unless
// something calls this; whoever loads them calls it first. Calling it again does nothing.
void registerShippedTables();
