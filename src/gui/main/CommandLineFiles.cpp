#include "gui/main/CommandLineFiles.h"
#include "gui/main/BrowserForm.h"
#include "core/errors/mErrorHandling.h"

using mErrorHandling::TopLevel;

namespace CommandLineFiles {
namespace {
constexpr const char* kModule = "CommandLineFiles";
} // namespace

void Open(BrowserForm& aForm, const QStringList& aPaths)
{
    TopLevel(kModule, "Open", [&] {
        QStringList existing;
        for (const QString& path : aPaths) {
            if (const int why = WhyMissing(path))
                aForm.AddMessage(NotAddedMessage(path, why));
            else
                existing.append(path);
        }
        if (!existing.isEmpty())
            aForm.AddDroppedPaths(existing);
    });
}

} // namespace CommandLineFiles
