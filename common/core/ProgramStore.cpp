#include "ProgramStore.h"

ProgramStore::ProgramStore(const QString &connectionName, const Database::Options &options, QObject *parent)
    : QObject(parent)
    , m_thread(connectionName)
    , m_options(options)
{
}

ProgramStore::~ProgramStore()
{
    shutdown();
}

StoreReply<ProgramStore::Opened> ProgramStore::open(const DatabaseConfig &config)
{
    m_config = config;
    StoreReply<Opened> reply;
    if (isShutDown()) {
        reply.giveUp();
        return reply;
    }
    m_thread.post([reply, config, options = m_options, name = connectionName()](QSqlDatabase) {
        Opened opened;
        QString error;
        const bool ok = Database::open(config, options, &error, name, &opened.warning);
        opened.outcome = Connection{QSqlDatabase::database(name, false), name}.outcome(ok, error);
        reply.set(opened);
    });
    return reply;
}

bool ProgramStore::shutdown(int graceMs)
{
    return m_thread.stop(graceMs);
}
