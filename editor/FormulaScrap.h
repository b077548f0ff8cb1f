// The editor's own clipboard, the formula scrap: one formula tree, or one
// operator kind when the last copy took an operator gap. Cut and Copy fill
// it from the selection, Paste inserts it at the selection. The equation
// view moves it to and from the system clipboard. User-interface thread.
#pragma once

#include <cstdint>

struct FormulaNode;

// A parentless tree owned by the editor; null when empty.
extern FormulaNode* FormulaScrap;
// Non-zero when the last copy or cut took an operator gap.
extern int32_t ScrapOperatorKind;

// 8704 cut, 8705 copy, 8706 paste, 8707 clear.
void DoClipboardCommand(int32_t code);
void CutToScrap();
void CopyToScrap();
void PasteFromScrap();
// The scrap becomes the tree (taken over; null empties it) with no operator.
void SetFormulaScrap(FormulaNode* tree);
void ClearFormulaScrap();

// The cells of a selected block as a new matrix.
FormulaNode* CopyBlockAsMatrix();
// A new node of the current node's kind holding copies of the selected run.
FormulaNode* CopySelectedRange();
void ReplaceWithScrapCopy();
void PasteAfterCaret();
void PasteBeforeCaret();
void PasteIntoNumber();

// A selected block of cells plus, minus or times the scrap, cell by cell.
void ApplyScrapToCellBlock(int32_t kind);
