#include "resources/dialog_template.h"

#include "resources/template_set.h"

#include <initializer_list>

const DialogTemplate* findDialogTemplate(int resourceId)
{
    for (const DialogTemplate* candidate :
         {&participantMainTemplate, &connectTemplate, &serverMainTemplate, &serverConnectTemplate}) {
        if (candidate->resourceId == resourceId) {
            return candidate;
        }
    }
    return nullptr;
}
