// The keywords of document statements that take numbers, as the scanner
// hands them to the grammar, with how many numbers each takes.
#pragma once

#include <cstdint>

enum DocKeyword : int32_t {
    KwHeader,
    KwTextEncodingUTF8, KwTextEncodingMacOS,
    KwWindow, KwPaneDivider, KwSignificantDigits, KwHideAxes, KwDrawGraph, KwFontSizes,
    KwBackgroundType, KwBackgroundColor, KwStackPanes, KwPageMargins, KwSlider, KwSliderSteps,
    KwSliderControlValue, KwSliderMoving, KwSliderThrottle, KwSliderOneDirection, KwSliderDirection,
    KwUseAntialiasing,
    Kw2DScale, Kw2DBottomLeft, Kw2DpScale, Kw2DpBottomLeft, Kw2DAxes, Kw2DGraphPaper, Kw2DpAxes,
    Kw2DpGraphPaper,
    Kw3DX, Kw3DY, Kw3DZ, Kw3DView, Kw3DRotation, Kw3DAxis, Kw3DSpeed, Kw3DDepth, Kw3DAxes, Kw3DpAxes,
    Kw3DpX, Kw3DpY, Kw3DpZ, Kw3DpView, Kw3DpRotation, Kw3DpAxis, Kw3DpSpeed, Kw3DpDepth,
    Kw4DDepth, Kw4DView, Kw4DRotation, Kw4DAxis1, Kw4DAxis2, Kw4DSpeed1, Kw4DSpeed2, Kw4DX, Kw4DY,
    Kw4DZ, Kw4DW, Kw4DShow4Daxes, Kw4DShow4DxyPlane,
    KwT, KwU, KwV, KwR, KwTheta, KwPhi,
    KwColor, KwGrain, KwOpacity, KwPlottingMode, KwXYType, KwMathPaneSlider, KwTableFontSize,
    KwTableDisplayRows,
    Kw2DT, Kw2DR, Kw2DTheta, Kw3DT, Kw3DU, Kw3DV, Kw3DR, Kw3DTheta, Kw3DPhi, Kw4DT, Kw4DU, Kw4DV,
    KwCount
};

// Numbers a keyword takes; "FontSizes" takes one or three.
int32_t KeywordArity(DocKeyword keyword);
bool KeywordTakesCount(DocKeyword keyword, int32_t count);
