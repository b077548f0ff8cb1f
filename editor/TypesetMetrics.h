// The lengths every typesetting handler and the formula port read: those of
// the font size of the node being laid out or drawn, and two style flags.
// User-interface thread only.
#pragma once

struct TypesetMetrics {
    float size;        // the font size s
    float atomHeight;  // s: the height of a line of text
    float atomDepth;   // s/4: how far text reaches below its baseline
    float lineWidth;   // s/20: the pen of rules and bars (whole pixels when drawn)
    float tenth;       // 0.1 s
    bool bold;
    bool italic;
};

extern TypesetMetrics Typeset;

// The metrics of font size s; the style flags stay.
void SetTypesetMetrics(float s);
void SetTypesetBold();
void SetTypesetItalic();
void ClearTypesetStyle();

// The font size of a script level in the table being laid out with (levels
// beyond the table take its last).
float ScriptLevelSize(int level);

// Lays out or draws at another size until it goes; the size before it comes
// back, the style flags stay.
class TypesetSizeScope {
public:
    explicit TypesetSizeScope(float s) : saved_(Typeset.size) { SetTypesetMetrics(s); }
    ~TypesetSizeScope() { SetTypesetMetrics(saved_); }
    TypesetSizeScope(const TypesetSizeScope&) = delete;
    TypesetSizeScope& operator=(const TypesetSizeScope&) = delete;

private:
    float saved_;
};

// How far the formula axis (the middle of fraction bars and of centred
// constructions) lies above the text baseline at font size s.
inline float AxisHeight(float s)
{
    return 0.26171875f * s;
}
