// What the extraction tells the progress panel. The extraction lies below the
// dialog and its panel and cannot see them: it declares the one procedure it
// calls, and the progress panel (setup/progress_panel.cpp) defines it.
#ifndef PAYLOAD_EXTRACT_PROGRESS_H
#define PAYLOAD_EXTRACT_PROGRESS_H

// A new file at path (its full path) has been created and is about to be
// written: counted as done and shown at once, before any of its data.
void ReportNewFile(const char *path);

#endif
