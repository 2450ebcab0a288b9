#pragma once

class QWidget;
class SkinResources;
class SkinnedButton;

//! The main window's skinned buttons by command id: tooltip, size and faces as the skin
//! draws them. Null for an id that has no button.
SkinnedButton* createToolButton(QWidget* canvas, const SkinResources& skin, int commandId);
