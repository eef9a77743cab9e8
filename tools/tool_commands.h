#pragma once
#include <functional>

class QWidget;
class CCaelvaneDoc;

// The active job document (the job of the active child window), or nullptr.
using ActiveDocumentProvider = std::function<CCaelvaneDoc*()>;

// "&AutoRun" (32794): the Timer dialog, one instance for the whole run.
void RunAutoRun(QWidget* parent, const ActiveDocumentProvider& activeDocument);
// The blank last "&Help" item (32798): the price monitor, one instance for the whole run.
void RunPriceMonitor(QWidget* parent, const ActiveDocumentProvider& activeDocument);
