#pragma once
// What a drawing asks of the pen and the font, kept by the devices that write documents of
// their own (PDF, SVG) until a drawing call writes it out: both keep the same state the same
// way, and differ only in how they write it.
#include <string_view>

#include "platform/drawing_device.h"

class CVectorDevice : public CDrawingDevice {
public:
    // `metrics` measures texts for layouts that ask (nullptr: they estimate); it must outlive
    // the device.
    explicit CVectorDevice(const CTextMetrics* metrics) : m_metrics(metrics) {}

    // The symbol face is asked for by name; every other face is the page face ("Arial").
    static constexpr std::string_view kSymbolFaceName = "DejaVu Sans";

    void Begin() override {
        m_color = 0;
        m_width = 1;
        m_flatEnds = false;
        m_scalableText = false;
    }
    void SetPenColor(COLORREF color) override { m_color = color & 0xFFFFFF; }
    void SetPenWidth(int width) override { m_width = width; }
    void SetPenEnds(PenEnds ends) override { m_flatEnds = ends == PenEnds::Flat; }
    void SelectFont(std::string_view face, int height, int bold) override {
        m_symbolFace = face == kSymbolFaceName;
        m_bold = bold == 1;
        m_fontHeight = height;
    }
    void SetScalableText(bool on) override { m_scalableText = on; }
    const CTextMetrics* TextMetrics() const override { return m_metrics; }

protected:
    const CTextMetrics* m_metrics;
    // What the drawing asks for.
    COLORREF m_color = 0;
    int m_width = 1;
    bool m_flatEnds = false;
    bool m_bold = false;
    bool m_symbolFace = false;
    int m_fontHeight = 0;
    bool m_scalableText = false;
};
