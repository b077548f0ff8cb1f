#include "document/DocumentKeywords.h"

int32_t KeywordArity(DocKeyword keyword)
{
    switch (keyword) {
    case KwTextEncodingUTF8: case KwTextEncodingMacOS:
        return 0;
    case KwSlider: case KwT: case KwU: case KwV: case KwR: case KwTheta: case KwPhi:
    case Kw2DT: case Kw2DR: case Kw2DTheta: case Kw2DBottomLeft: case Kw2DpBottomLeft:
    case Kw3DT: case Kw3DU: case Kw3DV: case Kw3DX: case Kw3DY: case Kw3DZ: case Kw3DpX: case Kw3DpY:
    case Kw3DpZ: case Kw3DR: case Kw3DTheta: case Kw3DPhi: case Kw4DT: case Kw4DU: case Kw4DV: case Kw4DX:
    case Kw4DY: case Kw4DZ: case Kw4DW:
        return 2;
    case KwBackgroundColor: case Kw3DAxis: case Kw3DpAxis: case Kw4DAxis1: case Kw4DAxis2:
        return 3;
    case KwWindow: case KwPageMargins: case Kw2DScale: case Kw2DpScale:
        return 4;
    case Kw3DView: case Kw3DRotation: case Kw3DpView: case Kw3DpRotation:
        return 9;
    case Kw4DView: case Kw4DRotation:
        return 16;
    default:
        return 1;
    }
}

bool KeywordTakesCount(DocKeyword keyword, int32_t count)
{
    return count == KeywordArity(keyword) || (keyword == KwFontSizes && count == 3);
}
