// Parses each statement of a file (one per line; blank lines and "--" lines skipped) with
// node-sql-parser in its TransactSQL mode.
//
//   node check.mjs --accept FILE   every statement must be valid T-SQL
//   node check.mjs --reject FILE   every statement must be refused (the Jet originals:
//                                  shows the check notices each Jet construct)
//
// T-SQL has no TRUE/FALSE literals (SQL Server reads them as column names), but the
// parser's grammar accepts them, so a statement whose syntax tree holds a Boolean
// literal counts as refused as well.
import { readFileSync } from 'node:fs';
import parserPackage from 'node-sql-parser';

const { Parser } = parserPackage;
const parser = new Parser();

function booleanLiteralIn(node) {
  if (Array.isArray(node)) return node.some(booleanLiteralIn);
  if (node === null || typeof node !== 'object') return false;
  if (node.type === 'bool') return true;
  return Object.values(node).some(booleanLiteralIn);
}

// T-SQL's LIKE takes an ESCAPE clause ("LIKE pattern ESCAPE 'c'"), which the parser's
// grammar lacks: the clause is taken off when it directly follows a LIKE pattern literal
// and names one character, so everything else of the statement is still checked.
function withoutLikeEscape(statement) {
  return statement.replace(/(LIKE\s+'(?:[^']|'')*')\s+ESCAPE\s+'(?:[^']|'')'/gi, '$1');
}

// The reason a statement is not valid T-SQL, or null when it is.
function problemWith(statement) {
  let tree;
  try {
    tree = parser.astify(withoutLikeEscape(statement), { database: 'TransactSQL' });
  } catch (error) {
    return String(error.message).split('\n')[0].slice(0, 200);
  }
  if (booleanLiteralIn(tree)) return 'Boolean literal (TRUE/FALSE) is not T-SQL';
  return null;
}

const [mode, file] = process.argv.slice(2);
if (!['--accept', '--reject'].includes(mode) || !file) {
  console.error('usage: node check.mjs --accept|--reject FILE');
  process.exit(2);
}

const statements = readFileSync(file, 'utf8').split('\n')
  .map((text, index) => ({ text, line: index + 1 }))
  .filter(({ text }) => text.trim() !== '' && !text.trim().startsWith('--'));

let failures = 0;
for (const { text, line } of statements) {
  const problem = problemWith(text);
  if (mode === '--accept' && problem) {
    failures++;
    console.error(`${file}:${line}: not valid T-SQL: ${problem}\n  ${text}`);
  } else if (mode === '--reject' && !problem) {
    failures++;
    console.error(`${file}:${line}: accepted as T-SQL although it is Jet:\n  ${text}`);
  }
}

const verb = mode === '--accept' ? 'valid T-SQL' : 'refused as Jet';
console.log(`${statements.length - failures} of ${statements.length} statements ${verb}`);
process.exit(failures === 0 && statements.length > 0 ? 0 : 1);
