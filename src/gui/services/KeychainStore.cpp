#include "services/KeychainStore.h"

#include <QEventLoop>
#include <QTimer>
#include <qt6keychain/keychain.h>

#include <memory>

namespace {

struct Answer {
    bool done = false;
    QKeychain::Error error = QKeychain::NoError;
    QString text;
    QByteArray data;
};

// Starts the job and waits for it. A job that does not answer in time is
// left to end on its own (it deletes itself), its answer dropped.
std::shared_ptr<Answer> Run(QKeychain::Job* job)
{
    auto answer = std::make_shared<Answer>();
    QEventLoop loop;
    QObject::connect(job, &QKeychain::Job::finished, &loop, [answer, &loop](QKeychain::Job* ended) {
        answer->done = true;
        answer->error = ended->error();
        answer->text = ended->errorString();
        if (auto* read = qobject_cast<QKeychain::ReadPasswordJob*>(ended))
            answer->data = read->binaryData();
        loop.quit();
    });
    job->setAutoDelete(true);
    job->setInsecureFallback(false);
    QTimer::singleShot(CKeychainStore::kAnswerLimitMs, &loop, &QEventLoop::quit);
    job->start();
    if (!answer->done)
        loop.exec(QEventLoop::ExcludeUserInputEvents);
    if (!answer->done) {
        answer->error = QKeychain::OtherError;
        answer->text = QStringLiteral("The keyring did not answer within %1 seconds.").arg(CKeychainStore::kAnswerLimitMs / 1000);
    }
    return answer;
}

IPasswordStore::Result ResultOf(const Answer& answer, std::string& error)
{
    if (answer.error == QKeychain::NoError)
        return IPasswordStore::Result::Ok;
    if (answer.error == QKeychain::EntryNotFound)
        return IPasswordStore::Result::NotFound;
    error = answer.text.toStdString();
    return IPasswordStore::Result::Unavailable;
}

QString Service() { return QString::fromLatin1(CKeychainStore::kService); }

} // namespace

IPasswordStore::Result CKeychainStore::Write(const std::string& key, const std::string& password, std::string& error)
{
    auto* job = new QKeychain::WritePasswordJob(Service());
    job->setKey(QString::fromStdString(key));
    // Bytes, not text: a password is kept exactly as typed, whatever its encoding.
    job->setBinaryData(QByteArray::fromStdString(password));
    return ResultOf(*Run(job), error);
}

IPasswordStore::Result CKeychainStore::Read(const std::string& key, std::string& password, std::string& error)
{
    auto* job = new QKeychain::ReadPasswordJob(Service());
    job->setKey(QString::fromStdString(key));
    const std::shared_ptr<Answer> answer = Run(job);
    const Result result = ResultOf(*answer, error);
    if (result == Result::Ok)
        password = answer->data.toStdString();
    return result;
}

IPasswordStore::Result CKeychainStore::Remove(const std::string& key, std::string& error)
{
    auto* job = new QKeychain::DeletePasswordJob(Service());
    job->setKey(QString::fromStdString(key));
    return ResultOf(*Run(job), error);
}
