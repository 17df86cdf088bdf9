#pragma once
// What chart files need beyond the generic property walk to store tools: the pictures tools
// hold, and names for the series tools refer to.
#include <QObject>
#include <QString>
#include <utility>
#include <vector>

// Registers the stored forms above (once per process; called by TeeStoreRegisterClasses).
void TeeToolStorageRegister();

// Gives every unnamed series of the chart that one of its tools or series groups refers to
// a name the file can carry ("Series1", ...); answers the series named, to be unnamed again after
// the writing.
std::vector<QObject*> NameReferencedSeries(QObject* Chart);
