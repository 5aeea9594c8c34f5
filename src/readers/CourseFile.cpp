#include "readers/CourseFile.h"

#include "core/Fields.h"
#include "core/Files.h"
#include "core/LineWarnings.h"
#include "core/Numbers.h"
#include "readers/FileLines.h"

#include <vector>

namespace quilo {
namespace {

// The first three codes of a position fill its alternatives; later ones replace the third.
void StoreAlternative(Alternatives& alternatives, int code) {
    if (alternatives[0] == 0) alternatives[0] = code;
    else if (alternatives[1] == 0) alternatives[1] = code;
    else alternatives[2] = code;
}

} // namespace

Result<Warnings> ReadCourseFile(Event& ev, const std::string& path) {
    const Result<std::string> bytes = ReadFileBytes(path);
    if (!bytes) {
        ev.LastClassIndex = -1;
        return bytes.Failure();
    }
    return ReadCourseText(ev, *bytes);
}

Warnings ReadCourseText(Event& ev, std::string_view bytes) {
    Warnings warnings;
    const std::vector<std::string> lines = EventFileLines(bytes, "Control.dat", warnings);

    SkippedLines skipped(warnings, "Control.dat");
    int counter = -1;

    for (std::size_t i = 0; i < lines.size(); ++i) {
        const std::string& line = lines[i];
        const int lineNumber = static_cast<int>(i) + 1;
        if (line.find(':') == std::string::npos) continue;
        std::string code = GetField(line, 1, ":");
        std::string value = GetField(line, 2, ":");

        if (code == "**") {
            ++counter;
            ev.EnsureClassEntries(counter + 1);
            ev.ClassNames[static_cast<std::size_t>(counter)] = value;
            continue;
        }

        if (counter < 0) {
            skipped.Skip(lineNumber, "最初のクラス行より前の行です");
            continue;
        }

        if (code == "99") {
            auto control = ToWholeNumber(value);
            if (!control) {
                skipped.Skip(lineNumber, "数値ではありません");
                continue;
            }
            StoreAlternative(ev.CourseControls[counter][kFinishPosition], *control);
            continue;
        }

        auto position = ToWholeNumber(code);
        auto control = ToWholeNumber(value);
        if (!position || !control) {
            skipped.Skip(lineNumber, "数値ではありません");
            continue;
        }
        if (*position < 1 || *position > kPositions) {
            skipped.Skip(lineNumber, "位置番号が範囲外です");
            continue;
        }
        StoreAlternative(ev.CourseControls[counter][*position], *control);
        if (ev.ControlCount[counter] < *position) ev.ControlCount[counter] = *position;
    }

    skipped.Finish();
    ev.LastClassIndex = counter;
    return warnings;
}

} // namespace quilo
