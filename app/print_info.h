#pragma once

// One print or preview run, as the view's printing steps see it. Page numbers of the run are
// 1-based; which chart page a run page shows is the view's business (reverse order).
struct CPrintInfo {
    bool preview = false;  // drawing for the preview window
    bool direct = false;   // printing without the print dialog
    int minPage = 1;       // the run's range, set when printing begins
    int maxPage = 0xFFFF;
    int fromPage = 0;  // the user's choice in the dialog; 0: from the first / to the last
    int toPage = 0;
    int curPage = 1;  // the run page being printed
};

// The chart page printed as run page `runPage` of a run whose last page is `maxPage`.
inline int ChartPageForRunPage(int runPage, int maxPage, bool reverse) {
    return reverse ? maxPage - runPage + 1 : runPage;
}
