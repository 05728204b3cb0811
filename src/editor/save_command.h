#pragma once

namespace ww {

class EditorWindow;

// Stores the record shown in the editor in the folder of its kind, under its
// name, asking before it replaces a file. Keeps nothing between runs.
class SaveCommand
{
public:
    explicit SaveCommand(EditorWindow &editor) : m_editor(editor) {}

    // True when the file was written.
    bool run();

private:
    EditorWindow &m_editor;
};

} // namespace ww
