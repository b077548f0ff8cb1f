// Saving an animation or a spin as a movie: each frame the idle work draws
// is grabbed from the graph pane, turned into a 24-bit bottom-up frame of
// the size the recording began with, and appended to the AVI file.
#pragma once

#include "CoreUtilities/PictureHandle.h"
#include "platform/CAVIFile.h"

#include <QString>

#include <cstdint>
#include <functional>
#include <vector>

class CGraphView;

class MovieRecorder {
public:
    // The picture of one frame (the caller's to free), or null.
    using FrameGrabber = std::function<PictureHandle()>;

    // Opens the movie for frames of the size; records nothing when the size
    // is empty or the movie cannot be made (the writer has told the user).
    MovieRecorder(const QString& path, int32_t* keepGoing, int32_t width, int32_t height, int32_t totalFrames,
                  FrameGrabber grab);
    ~MovieRecorder();
    MovieRecorder(const MovieRecorder&) = delete;
    MovieRecorder& operator=(const MovieRecorder&) = delete;

    // Grabs and writes the next frame; clears keepGoing once every frame is
    // written, the user stopped, or writing failed.
    void CaptureFrame();
    // Copies a packed bottom-up 32-bit picture into the frame at its
    // top-left, clipped to the frame: the pane may change size meanwhile.
    void CopyToFrame(const uint8_t* pixels, int32_t width, int32_t height);
    // Finishes the movie: kept with the frames written, dropped without any.
    void Release();

    int32_t FramesWritten() const { return framesWritten; }
    int32_t TotalFrames() const { return totalFrames; }

private:
    QString path;
    int32_t* keepGoing;
    int32_t totalFrames;
    int32_t framesWritten = 0;
    FrameGrabber grab;
    DibHeader header = {};
    std::vector<uint8_t> frame;
    CAVIFile file;
};

// The recorder of the movie being saved, while one is.
extern MovieRecorder* CurrentMovieRecorder;
bool IsMovieRecording();
// The idle work's entry after it has drawn a frame.
void CaptureMovieFrame();

// Movies are offered: the document draws its graphs in a shown pane, and
// an equation uses the slider variable or a view spins with every graph
// complete.
bool CanSaveMovie();

// Saves the movie of the running animation or spin of the view (0 active,
// 1 second, 2 the whole graph area) with a progress dialog whose Cancel
// stops it; false when nothing could be recorded.
bool SaveMovie(const QString& path, int32_t kind, CGraphView* graphView);
