/* The grammar of document text and of formula text. A document's statements
   are handed to the reader as they are reduced; a bad statement is skipped
   up to its ';', while a bad formula ends the whole parse. */

%require "3.2"
%define api.pure full
%define api.prefix {doc}
%define api.token.prefix {TOK_}
%define parse.error simple
%param {DocumentReader* reader}

%code requires {
#include "document/DocumentParseContext.h"
}

%code {
#include "document/DocumentReader.h"
#include "formula/CopyTree.h"
#include "formula/FormulaNode.h"

#include <cstdlib>

int doclex(DOCSTYPE* value, DocumentReader* reader);
void docerror(DocumentReader* reader, const char* message);

/* Deep enough for every statement and for the nesting limit of formulas;
   the stacks never grow beyond it. */
#define YYMAXDEPTH 2000
#define YYINITDEPTH 200
}

%union {
    double number;
    int32_t id;
    char* text;
    char16_t* wide;
    COurEdit* box;
    DataTable* table;
    GlobalHandle handle;
    ByteRun run;
    ParsedExpr expr;
}

%token DOCUMENT_START FORMULA_START
%token <id> KEYWORD LETTER
%token FONT_NAME SLIDER_VARIABLE PARAMETER EXPR
%token <handle> PRINT_DATA
%token <run> PICTURE_DATA
%token <box> TEXT_BLOCK
%token <table> TABLE_DATA
%token <id> SYMBOL
%token <number> STATEMENT_NUMBER FORMULA_NUMBER
%token <text> NAME FONT_TEXT
%token <wide> QUOTED_TEXT
%token VECTOR BAD_CHAR

%type <expr> e

%destructor { FreeTree($$.node); } <expr>
%destructor { std::free($$); } NAME
%destructor { std::free($$); } <wide>
%destructor { std::free($$.bytes); } <run>
%destructor { reader->DiscardTextBox($$); } <box>
%destructor { reader->DiscardTable($$); } <table>
%destructor { BudgetGlobalFree($$); } <handle>

%left ','
%left '=' '<' '>'
%left '+' '-'
%left '*' '/'
%precedence UMINUS
%right '^'
%precedence '!'
%right '_'

%%

input
    : DOCUMENT_START statements             { if (!reader->EndDocument()) YYABORT; }
    | FORMULA_START e                       { reader->FormulaResult($2.node); }
    ;

statements
    : statement
    | statements statement
    ;

numbers
    : STATEMENT_NUMBER                      { reader->BeginNumbers($1); }
    | numbers STATEMENT_NUMBER              { reader->AddNumber($2); }
    ;

statement
    : KEYWORD ';'                           { reader->BeginNumbers(); reader->KeywordStatement($1); }
    | KEYWORD numbers ';'                   { reader->KeywordStatement($1); }
    | FONT_NAME FONT_TEXT ';'               { reader->FontNameStatement($2); }
    | SLIDER_VARIABLE LETTER ';'            { reader->SliderVariableStatement($2); }
    | PARAMETER LETTER '=' STATEMENT_NUMBER ';' { reader->ParameterStatement($2, $4); }
    | EXPR e ';'                            { reader->ExprStatement($2.node); }
    | TEXT_BLOCK ';'                        { reader->TextBlockStatement($1); }
    | TABLE_DATA ';'                        { reader->TableStatement($1); }
    | PRINT_DATA ';'                        { BudgetGlobalFree($1); }
    | PICTURE_DATA ';'                      { reader->BeginNumbers(); reader->PictureStatement($1); }
    | PICTURE_DATA numbers ';'              { reader->PictureStatement($1); }
    | error ';'                             { reader->CountError(); }
    | BAD_CHAR ';'                          { reader->CountError(); }
    ;

e
    : e '+' e       { if (!reader->Binary('+', &$$, $1, $3)) YYABORT; }
    | e '-' e       { if (!reader->Binary('-', &$$, $1, $3)) YYABORT; }
    | e '*' e       { if (!reader->Binary('*', &$$, $1, $3)) YYABORT; }
    | e '/' e       { if (!reader->Binary('/', &$$, $1, $3)) YYABORT; }
    | e '^' e       { if (!reader->Binary('^', &$$, $1, $3)) YYABORT; }
    | e '_' e       { if (!reader->Binary('_', &$$, $1, $3)) YYABORT; }
    | e '=' e       { if (!reader->Binary('=', &$$, $1, $3)) YYABORT; }
    | e '>' e       { if (!reader->Binary('>', &$$, $1, $3)) YYABORT; }
    | e '<' e       { if (!reader->Binary('<', &$$, $1, $3)) YYABORT; }
    | e ',' e       { if (!reader->Binary(',', &$$, $1, $3)) YYABORT; }
    | e '!'         { if (!reader->Unary('!', &$$, $1)) YYABORT; }
    | '-' e %prec UMINUS { if (!reader->Unary('-', &$$, $2)) YYABORT; }
    | '|' e '|'     { if (!reader->Unary('|', &$$, $2)) YYABORT; }
    | '(' e ')'     { if (!reader->Unary('(', &$$, $2)) YYABORT; }
    | '[' e ']'     { if (!reader->Unary('[', &$$, $2)) YYABORT; }
    | '?'           { if (!reader->Leaf(&$$, MakePlaceholderNode())) YYABORT; }
    | FORMULA_NUMBER { if (!reader->Leaf(&$$, MakeNumberNode($1))) YYABORT; }
    | SYMBOL        { if (!reader->Leaf(&$$, MakeVariableNode(static_cast<uint32_t>($1)))) YYABORT; }
    | NAME '(' e ')' { if (!reader->Application(&$$, $1, $3)) YYABORT; }
    | VECTOR '(' e ')' { if (!reader->Vector(&$$, $3)) YYABORT; }
    | NAME          { if (!reader->Leaf(&$$, reader->NameNode($1))) YYABORT; }
    | QUOTED_TEXT   { if (!reader->Leaf(&$$, reader->TextNode($1))) YYABORT; }
    | BAD_CHAR      { $$ = ParsedExpr{nullptr, 0}; reader->CountError(); YYABORT; }
    | error         { $$ = ParsedExpr{nullptr, 0}; reader->CountError(); YYABORT; }
    ;

%%

void docerror(DocumentReader* reader, const char*)
{
    reader->CountError();
}
