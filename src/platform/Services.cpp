#include "platform/Services.h"

void reportFailure(Services &services, QWidget *parent, const QString &what, const QString &detail)
{
    QString text = what;
    if (!detail.isEmpty())
        text += QStringLiteral("\n\n") + detail;
    services.messages->show(parent, text, programName(), MsgIcon::Critical, MsgButtons::Ok);
}

void warnRefused(Services &services, QWidget *parent, const QString &text)
{
    services.messages->beep();
    services.messages->show(parent, text, programName(), MsgIcon::Warning, MsgButtons::Ok);
}
