#pragma once
// What the PowerUser logic asks of its window.
#include <QString>

namespace poweruser {

class PowerUserView {
public:
    virtual ~PowerUserView() = default;

    // Points the folder list `Dir1` at a folder and lists it afresh. When the folder
    // differs from the one shown, the list reports the change like a double click
    // (PowerUser::folderChanged), also while this call runs.
    virtual void showFolder(const QString &folder) = 0;

    // Sets the status text `backuptext`.
    virtual void setStatusText(const QString &text) = 0;
};

}  // namespace poweruser
