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
%token <id> KEYWORD Letter
%token FONT_NAME SLIDER_VARIABLE PARAMETER EXPR
%token <handle> PrintData
%token <run> PictureData
%token <box> TextBlock
%token <table> TableData
%token <id> Symbol
%token <number> StatementNumber FormulaNumber
%token <text> Name FontText
%token <wide> QuotedText
%token VectorKeyword BadChar

%type <expr> e

%destructor { FreeTree($$.node); } <expr>
%destructor { std::free($$); } Name
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
    : StatementNumber                      { reader->BeginNumbers($1); }
    | numbers StatementNumber              { reader->AddNumber($2); }
    ;

statement
    : KEYWORD ';'                           { reader->BeginNumbers(); reader->KeywordStatement($1); }
    | KEYWORD numbers ';'                   { reader->KeywordStatement($1); }
    | FONT_NAME FontText ';'               { reader->FontNameStatement($2); }
    | SLIDER_VARIABLE Letter ';'            { reader->SliderVariableStatement($2); }
    | PARAMETER Letter '=' StatementNumber ';' { reader->ParameterStatement($2, $4); }
    | EXPR e ';'                            { reader->ExprStatement($2.node); }
    | TextBlock ';'                        { reader->TextBlockStatement($1); }
    | TableData ';'                        { reader->TableStatement($1); }
    | PrintData ';'                        { BudgetGlobalFree($1); }
    | PictureData ';'                      { reader->BeginNumbers(); reader->PictureStatement($1); }
    | PictureData numbers ';'              { reader->PictureStatement($1); }
    | error ';'                             { reader->CountError(); }
    | BadChar ';'                          { reader->CountError(); }
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
    | FormulaNumber { if (!reader->Leaf(&$$, MakeNumberNode($1))) YYABORT; }
    | Symbol        { if (!reader->Leaf(&$$, MakeVariableNode(static_cast<uint32_t>($1)))) YYABORT; }
    | Name '(' e ')' { if (!reader->Application(&$$, $1, $3)) YYABORT; }
    | VectorKeyword '(' e ')' { if (!reader->Vector(&$$, $3)) YYABORT; }
    | Name          { if (!reader->Leaf(&$$, reader->NameNode($1))) YYABORT; }
    | QuotedText   { if (!reader->Leaf(&$$, reader->TextNode($1))) YYABORT; }
    | BadChar      { $$ = ParsedExpr{nullptr, 0}; reader->CountError(); YYABORT; }
    | error         { $$ = ParsedExpr{nullptr, 0}; reader->CountError(); YYABORT; }
    ;

%%

void docerror(DocumentReader* reader, const char*)
{
    reader->CountError();
}
