#pragma once

class Dataset;

// Puts a list's current row back on the record number it had: the same place in the list,
// not necessarily the same row. When fewer rows remain, the last row.
void returnTo(Dataset& list, int recNo);
// Re-reads the list first.
void reopenAt(Dataset& list, int recNo);
