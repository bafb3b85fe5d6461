// The campaign's fixture: every payload is installed through ExtractPayload
// from its own carrier program (a copy of the payload stub with the payload
// as its "ZAR"/119 resource) into a fresh install folder, with canaries next
// to it and at the root of the drive. Nothing outside the install folder may
// change; a crash or a walk that never returns ends the program with the
// name of the payload that caused it.
//
// The Start Menu folder is taken away for the whole test, so a payload that
// installs completely ends in -2 (files written, shortcuts failed) without
// writing anything outside the install folder, and the uninstall entry is
// never written.
#ifndef TESTS_BADINPUT_BADINPUT_FIXTURE_H
#define TESTS_BADINPUT_BADINPUT_FIXTURE_H

#include <memory>

#include "code_length_cases.h"
#include "integration_fixture.h"

namespace badinput {

struct Outcome {
    int32_t result = 0;
    int32_t cancelled = 0;
    uint32_t progressDone = 0;
    std::string currentFile;
    Names installed;   // the install folder's tree afterwards
};

class BadInputTest : public IntegrationTest {
protected:
    void SetUp() override;
    void TearDown() override;

    // Installs payload expecting fileCount records; label names the case in
    // failure messages and crash reports.
    Outcome Install(const Bytes &payload, int32_t fileCount, const std::string &label);
    Bytes ReadInstalled(const std::string &name) const;

    std::string installDir;   // the same for every case, ends in a backslash

private:
    struct Outside;
    Outside Snapshot() const;
    void Walk(const std::string &relative, Outside &outside) const;

    std::shared_ptr<Outside> baseline_;   // as SetUp left it: never to change
    std::string carrier_;
    std::string drive_;
    std::string workingDir_;
};

}   // namespace badinput

#endif
