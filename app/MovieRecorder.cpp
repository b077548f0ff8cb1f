#include "app/MovieRecorder.h"

#include "app/CGraphView.h"
#include "app/CWaitDialog.h"
#include "document/DocState.h"
#include "graphs2d/GraphSet.h"
#include "platform/MessageBox.h"

#include <QEventLoop>
#include <QTimer>

#include <algorithm>
#include <cstring>

MovieRecorder* CurrentMovieRecorder = nullptr;

namespace {

constexpr int32_t kFramesPerSecond = 15;
constexpr int32_t kKeyFrameSpacing = 45;

int32_t FrameRowBytes(int32_t width)
{
    return (3 * width + 3) & ~3;
}

}  // namespace

MovieRecorder::MovieRecorder(const QString& moviePath, int32_t* keep, int32_t width, int32_t height, int32_t total,
                             FrameGrabber grabber)
    : path(moviePath), keepGoing(keep), totalFrames(total), grab(std::move(grabber)),
      file(moviePath.toStdString(), kFramesPerSecond)
{
    *keepGoing = 1;
    if (width < 1 || height < 1 || width > 32767 || height > 32767) {
        *keepGoing = 0;
        return;
    }
    header.biSize = sizeof(DibHeader);
    header.biWidth = width;
    header.biHeight = height;
    header.biPlanes = 1;
    header.biBitCount = 24;
    header.biSizeImage = static_cast<uint32_t>(height) * static_cast<uint32_t>(FrameRowBytes(width));
    frame.assign(header.biSizeImage, 0);
    if (!file.IsGood() || !file.CreateStream(header))
        *keepGoing = 0;
}

MovieRecorder::~MovieRecorder()
{
    Release();
}

void MovieRecorder::CopyToFrame(const uint8_t* pixels, int32_t width, int32_t height)
{
    const int32_t rows = std::min(height, header.biHeight);
    const int32_t columns = std::min(width, header.biWidth);
    const int32_t rowBytes = FrameRowBytes(header.biWidth);
    // Source row r from the top lies at height - 1 - r in the bottom-up
    // picture, and at frame height - 1 - r in the frame.
    for (int32_t r = 0; r < rows; ++r) {
        const uint8_t* from = pixels + static_cast<size_t>(height - 1 - r) * 4 * width;
        uint8_t* to = frame.data() + static_cast<size_t>(header.biHeight - 1 - r) * rowBytes;
        for (int32_t c = 0; c < columns; ++c)
            std::memcpy(to + 3 * c, from + 4 * c, 3);
    }
}

void MovieRecorder::CaptureFrame()
{
    if (framesWritten >= totalFrames || !*keepGoing || !file.IsGood()) {
        *keepGoing = 0;
        return;
    }
    if (PictureHandle picture = grab ? grab() : nullptr) {
        ShortRect bounds;
        GetPictureBounds(picture, bounds);
        const auto* dib = static_cast<const DibHeader*>(LockGlobalHandle(picture));
        if (dib)
            CopyToFrame(GetPackedDibBits(dib), ShortRectWidth(bounds), ShortRectHeight(bounds));
        UnlockGlobalHandle(picture);
        FreeGlobalHandle(picture);
    }
    if (!file.WriteFrame(header, frame.data(), framesWritten % kKeyFrameSpacing == 0)) {
        ShowMessageBox(QStringLiteral("Could not write the file %1").arg(path).toStdU16String(), u"Vellumor",
                       MessageBoxIcon::Error);
        file.Close();
        *keepGoing = 0;
        return;
    }
    ++framesWritten;
    if (framesWritten >= totalFrames)
        *keepGoing = 0;
}

void MovieRecorder::Release()
{
    // A movie without a single frame is not left behind.
    if (framesWritten == 0)
        file.Discard();
    else
        file.Close();
}

bool IsMovieRecording()
{
    return CurrentMovieRecorder != nullptr;
}

void CaptureMovieFrame()
{
    if (CurrentMovieRecorder)
        CurrentMovieRecorder->CaptureFrame();
}

bool CanSaveMovie()
{
    DocState* doc = GetDocState();
    if (!doc->DrawGraph || !doc->IsGraphPaneShown())
        return false;
    const DocumentGraphSet* graphs = doc->Graphs;
    return doc->AnyLineUsesSliderVariable() || (graphs && graphs->IsBusy() && graphs->AreAllComplete());
}

bool SaveMovie(const QString& path, int32_t kind, CGraphView* graphView)
{
    DocState* doc = GetDocState();
    auto* graphs = dynamic_cast<GraphSet*>(doc->Graphs);
    if (!graphs || !graphView || CurrentMovieRecorder)
        return false;
    ShortRect area;
    graphs->GetViewRect(area, kind);
    // A spinning view whose graphs are complete records its turn; otherwise
    // an equation with the slider variable records the animation.
    const bool spinning = graphs->IsBusy() && graphs->AreAllComplete();
    if (doc->AnyLineUsesSliderVariable() && !doc->IsAnimating() && !spinning)
        doc->ToggleAnimation(false);
    const int32_t total = graphs->SetSpinFrames(doc->IsAnimating() ? 2 * doc->GetSliderSteps() : 0);
    int32_t keepGoing = 1;
    bool dialogKeepGoing = true;
    CWaitDialog dialog(&dialogKeepGoing, QStringLiteral("Saving movie"), QStringLiteral("Click cancel to stop"),
                       graphView->window());
    MovieRecorder recorder(path, &keepGoing, ShortRectWidth(area), ShortRectHeight(area), total,
                           [graphView, kind] { return graphView->MakeDIB(kind); });
    if (keepGoing && doc->IsAnimating()) {
        // The movie starts at the slider's first position.
        doc->SetAnimationSliderPosition(0);
        doc->SyncAnimationValue();
        graphs->AllVariableChanged(doc->GetSliderVariable());
    }
    CurrentMovieRecorder = &recorder;
    while (keepGoing) {
        dialog.SetProgress(total > 0 ? static_cast<int32_t>(static_cast<int64_t>(recorder.FramesWritten()) * 100 / total)
                                     : 0);
        if (!dialogKeepGoing)
            keepGoing = 0;
        // The idle work draws and captures the frames meanwhile.
        QEventLoop wait;
        QTimer::singleShot(20, &wait, &QEventLoop::quit);
        wait.exec();
    }
    CurrentMovieRecorder = nullptr;
    dialog.Destruct();
    recorder.Release();
    return recorder.FramesWritten() > 0;
}
