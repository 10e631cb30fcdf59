// Reads documents the way a Bukkit server loads a plugin's YAML file (SnakeYAML's safe
// constructor, no alias or size limit) and prints one line per document: whether it
// loads, and either the composed node tree or the error with its position.
// Input on stdin, one document per line: NAME TAB BASE64(UTF-8 bytes).
// Output: NAME TAB RESULT, where RESULT is
//   ok TREE | notmap TREE | error LINE:COLUMN KIND: PROBLEM | error reader XXXX | error KIND: MESSAGE
// with 0-based line and column as SnakeYAML counts them.
import java.io.BufferedReader;
import java.io.FileDescriptor;
import java.io.FileOutputStream;
import java.io.InputStreamReader;
import java.io.PrintStream;
import java.io.StringReader;
import java.nio.charset.StandardCharsets;
import java.util.Base64;
import java.util.IdentityHashMap;
import java.util.Map;

import org.yaml.snakeyaml.DumperOptions;
import org.yaml.snakeyaml.LoaderOptions;
import org.yaml.snakeyaml.Yaml;
import org.yaml.snakeyaml.composer.ComposerException;
import org.yaml.snakeyaml.constructor.ConstructorException;
import org.yaml.snakeyaml.constructor.SafeConstructor;
import org.yaml.snakeyaml.error.Mark;
import org.yaml.snakeyaml.error.MarkedYAMLException;
import org.yaml.snakeyaml.error.YAMLException;
import org.yaml.snakeyaml.nodes.MappingNode;
import org.yaml.snakeyaml.nodes.Node;
import org.yaml.snakeyaml.nodes.NodeTuple;
import org.yaml.snakeyaml.nodes.ScalarNode;
import org.yaml.snakeyaml.nodes.SequenceNode;
import org.yaml.snakeyaml.parser.ParserException;
import org.yaml.snakeyaml.reader.ReaderException;
import org.yaml.snakeyaml.representer.Representer;
import org.yaml.snakeyaml.scanner.ScannerException;

public final class SnakeDump {
    public static void main(String[] args) throws Exception {
        BufferedReader in = new BufferedReader(new InputStreamReader(System.in, StandardCharsets.UTF_8));
        PrintStream out = new PrintStream(new FileOutputStream(FileDescriptor.out), true, "UTF-8");
        String line;
        while ((line = in.readLine()) != null) {
            if (line.isEmpty()) continue;
            int tab = line.indexOf('\t');
            byte[] bytes = Base64.getDecoder().decode(line.substring(tab + 1));
            out.println(line.substring(0, tab) + "\t" + oneLine(describe(new String(bytes, StandardCharsets.UTF_8))));
        }
    }

    // Messages may quote a tab or a line break; keep each result on one line.
    static String oneLine(String s) {
        return s.replace("\\t", "\\t").replace("\t", "\\t").replace("\n", "\\n").replace("\r", "\\r");
    }

    static Yaml yaml() {
        LoaderOptions options = new LoaderOptions();
        options.setMaxAliasesForCollections(Integer.MAX_VALUE);
        options.setCodePointLimit(Integer.MAX_VALUE);
        DumperOptions dumper = new DumperOptions();
        return new Yaml(new SafeConstructor(options), new Representer(dumper), dumper, options);
    }

    static String describe(String text) {
        Object data;
        try {
            data = yaml().load(text);
        } catch (MarkedYAMLException e) {
            Mark m = e.getProblemMark();
            String where = m == null ? "-" : m.getLine() + ":" + m.getColumn();
            return "error " + where + " " + kind(e) + ": " + e.getProblem();
        } catch (ReaderException e) {
            return "error reader " + String.format("%04X", e.getCodePoint());
        } catch (YAMLException e) {
            return "error yaml: " + e.getMessage();
        } catch (RuntimeException | StackOverflowError e) {
            return "error java: " + e.getClass().getSimpleName();
        }
        Node root = yaml().compose(new StringReader(text));
        String tree = root == null ? "-" : dump(root, new IdentityHashMap<>());
        return (data == null || data instanceof Map ? "ok " : "notmap ") + tree;
    }

    static String kind(MarkedYAMLException e) {
        if (e instanceof ScannerException) return "scanner";
        if (e instanceof ParserException) return "parser";
        if (e instanceof ComposerException) return "composer";
        if (e instanceof ConstructorException) return "constructor";
        return "marked";
    }

    static String tag(Node node) {
        String t = node.getTag().getValue();
        return t.startsWith("tag:yaml.org,2002:") ? "!!" + t.substring(18) : "!<" + t + ">";
    }

    static String dump(Node node, IdentityHashMap<Node, Boolean> path) {
        if (path.containsKey(node)) return "<recursive>";
        path.put(node, Boolean.TRUE);
        StringBuilder b = new StringBuilder();
        if (node instanceof ScalarNode) {
            ScalarNode s = (ScalarNode) node;
            b.append(tag(node)).append(' ').append(style(s.getScalarStyle().getChar())).append(quote(s.getValue()));
        } else if (node instanceof SequenceNode) {
            if (!tag(node).equals("!!seq")) b.append(tag(node)).append(' ');
            b.append('[');
            boolean first = true;
            for (Node item : ((SequenceNode) node).getValue()) {
                if (!first) b.append(", ");
                first = false;
                b.append(dump(item, path));
            }
            b.append(']');
        } else {
            if (!tag(node).equals("!!map")) b.append(tag(node)).append(' ');
            b.append('{');
            boolean first = true;
            for (NodeTuple t : ((MappingNode) node).getValue()) {
                if (!first) b.append(", ");
                first = false;
                b.append(dump(t.getKeyNode(), path)).append(": ").append(dump(t.getValueNode(), path));
            }
            b.append('}');
        }
        path.remove(node);
        return b.toString();
    }

    static char style(Character c) {
        if (c == null) return 'p';
        switch (c) {
            case '\'': return 's';
            case '"': return 'd';
            case '|': return 'l';
            case '>': return 'f';
            default: return 'p';
        }
    }

    static String quote(String value) {
        StringBuilder b = new StringBuilder("\"");
        for (int i = 0; i < value.length();) {
            int cp = value.codePointAt(i);
            i += Character.charCount(cp);
            if (cp == '\\') b.append("\\\\");
            else if (cp == '"') b.append("\\\"");
            else if (cp == '\n') b.append("\\n");
            else if (cp == '\r') b.append("\\r");
            else if (cp == '\t') b.append("\\t");
            else if (cp < 0x20 || (cp >= 0x7F && cp <= 0x9F) || cp == 0x2028 || cp == 0x2029 || cp == 0xFEFF
                     || (cp >= 0xD800 && cp <= 0xDFFF) || cp == 0xFFFE || cp == 0xFFFF)
                b.append(String.format("\\u{%04X}", cp));
            else b.appendCodePoint(cp);
        }
        return b.append('"').toString();
    }
}
