// Connections to the shared sample sandbox and whole results as text.
#include "sample_harbor.h"

#include "support/sandbox_process.h"

#include <gtest/gtest.h>

#include <QDateTime>
#include <QFile>

#include <algorithm>
#include <map>
#include <memory>
#include <stdexcept>

namespace sample {

namespace {

std::map<QString, std::unique_ptr<norvane::Connection>>& openConnections()
{
    static std::map<QString, std::unique_ptr<norvane::Connection>> connections;
    return connections;
}

// Closes the connections before the shared sandbox stops at exit.
class CloseConnections : public ::testing::Environment {
public:
    void TearDown() override { openConnections().clear(); }
};
[[maybe_unused]] const auto* const closeConnectionsAtEnd = ::testing::AddGlobalTestEnvironment(new CloseConnections);

QString sampleScript()
{
    QString directory = qEnvironmentVariable("NORVANE_SAMPLE_DIR");
    if (directory.isEmpty())
        directory = NORVANE_SAMPLE_DIR_DEFAULT;
    QFile file(directory + "/01_harbor.sql");
    if (!file.open(QIODevice::ReadOnly))
        throw std::runtime_error("no 01_harbor.sql in " + directory.toStdString());
    return QString::fromLatin1(file.readAll());
}

}  // namespace

QString cellText(const norvane::Field& field)
{
    const QVariant& value = field.value();
    if (field.isNull())
        return "<NULL>";
    if (value.typeId() == QMetaType::QByteArray)
        return "0x" + QString::fromLatin1(value.toByteArray().toHex().toUpper());
    if (value.typeId() == QMetaType::Bool)
        return value.toBool() ? "1" : "0";
    if (value.typeId() == QMetaType::QDateTime)
        return value.toDateTime().toString("yyyy-MM-dd hh:mm:ss.zzz");
    return value.toString();
}

norvane::Connection& connection(const QString& database)
{
    auto& connections = openConnections();
    auto found = connections.find(database);
    if (found == connections.end()) {
        auto opened = std::make_unique<norvane::Connection>();
        opened->open(norvane::test::sharedSampleSandbox().connectionString(database));
        found = connections.emplace(database, std::move(opened)).first;
    }
    return *found->second;
}

Result query(const QString& sql, const QString& database)
{
    Result result;
    norvane::Recordset rows = connection(database).execute(sql);
    for (const norvane::Field& field : rows.fields()) {
        result.columns << field.name();
        result.types.push_back(field.type());
    }
    while (!rows.eof()) {
        QStringList row;
        for (const norvane::Field& field : rows.fields())
            row << cellText(field);
        result.rows.push_back(row);
        rows.moveNext();
    }
    rows.close();
    return result;
}

std::vector<QStringList> sorted(std::vector<QStringList> rows)
{
    std::sort(rows.begin(), rows.end(), [](const QStringList& a, const QStringList& b) {
        return a.join(QChar(0x1F)).compare(b.join(QChar(0x1F)), Qt::CaseInsensitive) < 0;
    });
    return rows;
}

QString definition(const QString& name)
{
    static const QStringList batches = sampleScript().split("\r\nGO\r\n");
    for (const QString& batch : batches) {
        for (const char* kind : {"VIEW", "PROCEDURE", "FUNCTION", "TRIGGER"}) {
            const QString head = QString("CREATE %1 %2").arg(kind, name);
            if (batch.startsWith(head) && batch.size() > head.size()
                && (batch[head.size()] == ' ' || batch[head.size()] == '\r'))
                return batch;
        }
    }
    throw std::runtime_error("no definition of " + name.toStdString() + " in 01_harbor.sql");
}

}  // namespace sample
