#include "shell/session.h"

namespace norvane {

namespace {
Session& theSession()
{
    static Session record;
    return record;
}
}  // namespace

Session& session()
{
    return theSession();
}

}  // namespace norvane
