#pragma once

class Dataset;

// Deletes the selected entry of a journal list after asking and reloads the list from its first
// row; the server brings the worker's hours of that day in step. An empty list asks nothing.
void deleteSelectedEntry(Dataset& list);
