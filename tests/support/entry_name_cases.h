// The record name rule's cases, one table for every layer that applies it:
// the rule itself (EntryNameIsSafe, natively and under Wine), entry
// extraction and the bad-input campaign under Wine, and zar's test and
// extract. Names aim at the campaign's canaries ("..\canary.txt" and the
// like), so that a layer that lets one through writes where it is seen.
#ifndef TESTS_SUPPORT_ENTRY_NAME_CASES_H
#define TESTS_SUPPORT_ENTRY_NAME_CASES_H

#include <string>
#include <vector>

namespace cases {

// Names that could lead out of the install directory, or that Windows would
// take for another name (steps up, roots, drives, streams, forward slashes,
// empty components, components of dots and blanks or ending in one): refused.
const std::vector<std::string> &LeavingNames();
// Names that Windows opens as a device instead of a file, at any depth:
// refused.
const std::vector<std::string> &DeviceNames();
// Names close to both that are plain files: written.
const std::vector<std::string> &SafeNames();

}   // namespace cases

#endif
