#pragma once
// Small helpers the session's statement handlers share: messages to the client and name folding.
#include <string>

#include "engine/result_sink.h"
#include "engine/sql_error.h"

namespace sandbox {

// The version text @@VERSION answers with.
inline const char* versionText()
{
    return "Microsoft SQL Server  2000 - 8.00.760 (Norvane sandbox, SQL Server 2000 compatible)";
}

inline std::string lower(const std::string& text)
{
    std::string out = text;
    for (char& c : out)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return out;
}

inline void sendError(ResultSink& sink, const SqlError& error)
{
    ServerMessage message;
    message.number = error.number;
    message.severity = error.severity;
    message.state = error.state;
    message.text = error.what();
    sink.message(message);
}

inline void sendInfo(ResultSink& sink, int number, const std::string& text, int severity = 0)
{
    ServerMessage message;
    message.number = number;
    message.severity = severity;
    message.text = text;
    sink.message(message);
}

}  // namespace sandbox
