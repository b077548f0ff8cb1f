#include "platform/SoundResource.h"

#include "platform/ProgramResources.h"

#include <QAudioDevice>
#include <QCoreApplication>
#include <QMediaDevices>
#include <QPointer>
#include <QSoundEffect>
#include <QThread>
#include <QUrl>

#include <map>
#include <string>

void PlaySoundResource(const char* name)
{
    QCoreApplication* app = QCoreApplication::instance();
    if (!name || !app || QThread::currentThread() != app->thread())
        return;
    QAudioDevice output = QMediaDevices::defaultAudioOutput();
    if (output.isNull())
        return;
    RegisterProgramResources();
    // One effect per sound, owned by the application so that it goes before
    // the audio system does.
    static std::map<std::string, QPointer<QSoundEffect>> effects;
    QPointer<QSoundEffect>& effect = effects[name];
    if (!effect) {
        effect = new QSoundEffect(output, app);
        effect->setSource(QUrl(QStringLiteral("qrc:/sounds/%1.wav").arg(QString::fromUtf8(name))));
    }
    effect->play();
}
